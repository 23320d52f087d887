// Sways the model's top with time and passes its colour on.
uniform float time;
void main() {
  vec4 p = gl_Vertex;
  p.x += 0.25 * p.y * sin(time * 2.0);
  gl_FrontColor = gl_Color;
  gl_Position = gl_ModelViewProjectionMatrix * p;
}
