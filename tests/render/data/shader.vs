// c2..c5: transposed world-view-projection; c1: colour.
void main() {
  gl_Position = vec4(dot(vPosition, c[2]), dot(vPosition, c[3]), dot(vPosition, c[4]), dot(vPosition, c[5]));
  oD0 = c[1];
}
