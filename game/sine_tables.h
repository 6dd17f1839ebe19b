// Sine and cosine of every whole degree, read by the gimmicks.
#ifndef PELLACOR_GAME_SINE_TABLES_H
#define PELLACOR_GAME_SINE_TABLES_H

extern float SineTable[360];
extern float CosineTable[360];

// Fills both tables; the shell does it once at start-up.
void FillSineTables();

#endif
