// Calculator Ka-Vm: every statement ends with ";", and a calculation writes
// "=" and the result behind it (an old result is replaced).

// Arithmetic, power and factorial
1 + 2*3 = 0;
2^10;
-2^2;                       // the sign applies to the whole power
5! + Γ(5);

// Complex numbers
(1 + 2*i) * (3 − i);
sqrt(0-4);
abs(3 + 4*i);

// Functions
sin(pi/6) + cos(0);
ln(e^2);
ln(200!);                   // the logarithm of a factorial does not overflow
J(0, 2.404825557695773);    // a zero of the Bessel function J0

// Memory cells and the previous result
1.5 -> mem[rate];
100 * mem[rate];
rslt / 2;

// Series and products
sum(k, 1, 100, k);
prod(n, 1, 10, n);
sum(k, 0, 20, 1/(k)!);         // "!" after a name needs brackets
