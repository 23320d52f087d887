// Game-facing numeric commands: trigonometry in degrees, powers and roots,
// remainders that never fault, minimum and maximum, rectangle overlap, and
// the random number generator.
#pragma once

// ---- Trigonometry in degrees -------------------------------------------------
double SinDeg(double angle);                      // sine of an angle in degrees
double CosDeg(double angle);                      // cosine of an angle in degrees
double TanDeg(double angle);                      // tangent of an angle in degrees
double ATan2Deg(double y, double x);              // atan2(y, x) in degrees, -180..180
double ASinDeg(double x);                         // arc sine in degrees; 90 / -90 beyond +-1
double ACosDeg(double x);                         // arc cosine in degrees; 0 / 180 beyond +-1

// ---- Powers, logarithms, remainders ---------------------------------------------
double Power(double base, double exponent);       // base raised to exponent
double SquareRoot(double x);                      // square root
double NaturalLog(double x);                      // natural logarithm
double FloatMod(double a, double b);              // fmod(a, b); 0 when b is 0
double IntMod(double a, double b);                // 32-bit a % b (sign of a); 0 when b is 0

// ---- Comparing and measuring ------------------------------------------------------
double MaxOf(double a, double b);                 // a when a > b, else b
double MinOf(double a, double b);                 // a when b > a, else b
double NumberTextLength(double value);            // length of the number's text
double BoxesOverlap(double x1, double y1, double w1, double h1,
                    double x2, double y2, double w2, double h2);  // 1 when two pixel rectangles share a pixel

// ---- Random numbers -----------------------------------------------------------------
void SeedRandom(double seed);                     // restart the sequence from a 32-bit seed
double Random(double n);                          // integer 0..n; 0 for n <= 0 (sequence untouched)
