// The process entry linked into every game: hands the game's functions to the runtime.
#include "orvane/program.h"
#include "runtime/program_entry.h"

int main(int argc, char** argv) {
  orv::GameProgram game;
  game.settings = GameSettings;
  game.main = GameMain;
  game.exitHook = GameExitHook;
  game.functions = FunctionNameTable;
  orv::ProgramEntry(argc, argv, game);
}
