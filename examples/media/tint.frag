// Blends the vertex colour toward a tint that pulses with time.
uniform float time;
uniform int bands;
void main() {
  vec3 tint = vec3(1.0, 0.45, 0.1);
  float stripe = step(0.5, fract(gl_FragCoord.y / float(bands)));
  float amount = 0.35 + 0.35 * sin(time * 3.0) * stripe;
  gl_FragColor = vec4(mix(gl_Color.rgb, tint, amount), 1.0);
}
