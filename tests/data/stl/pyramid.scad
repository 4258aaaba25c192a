// A square pyramid: base 30 x 30 at the origin, apex 15 high over its middle.
polyhedron(points = [[0, 0, 0], [30, 0, 0], [30, 30, 0], [0, 30, 0], [15, 15, 15]],
           faces = [[0, 1, 4], [1, 2, 4], [2, 3, 4], [3, 0, 4], [1, 0, 3], [2, 1, 3]]);
