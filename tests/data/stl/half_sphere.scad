// A half sphere of radius 20 on its flat base, centred at (25, 25).
$fn = 48;
translate([25, 25, 0]) intersection() {
  sphere(r = 20);
  translate([-25, -25, 0]) cube([50, 50, 25]);
}
