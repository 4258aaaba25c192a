// Three blocks side by side along X, 4, 8 and 12 high: a stepped block.
union() {
  cube([10, 20, 4]);
  translate([10, 0, 0]) cube([10, 20, 8]);
  translate([20, 0, 0]) cube([10, 20, 12]);
}
