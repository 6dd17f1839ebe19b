// The program's entry point: the whole run is GameMain's.
#include <windows.h>

#include "game/game_main.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return GameMain(); }
