// The whole run of the game: start-up, the main loop and shut-down. The
// platform's entry point only calls GameMain, so a run is testable.
#ifndef PELLACOR_GAME_GAME_MAIN_H
#define PELLACOR_GAME_GAME_MAIN_H

class GameManager;

// One complete run; -1 when the framework cannot start, else 0.
int GameMain();
// Brings the framework up and asks for the window mode; -1 when it fails.
int InitializeGame();
// One pass of the main loop; false once the program must end (the scene is
// then deleted and the high score written).
bool RunFrame(GameManager &game);

#endif
