// Text, data statements and random numbers: reads a high-score table that is
// compiled into the game, prints it in columns, parses a settings line,
// protects a save string and rolls some dice. Prints to standard output.
#include <cstdio>

#include "orvane/orvane.h"

// Data statements: items are numbers or texts, read in order.
const DataItem kHighScores[] = {"Ann", 12050, "Bob", 9875.5, "Cleo", 7200};
DataBlock highScores(kHighScores);

void GameSettings(ProjectSettings& settings) {
  settings.width = 320;
  settings.height = 200;
  RtString caption("text example");
  settings.caption.Exchange(caption);
}

double GameMain() {
  RestoreData(highScores);
  for (int i = 0; i < 3; ++i) {
    RtString name;
    double score = 0;
    ReadText(name);
    ReadNumber(score);
    RtString line = MidText(name + "..........", 0, 10) + FormatNumber(9, 1, score);
    std::printf("%s\n", line.CStr());
  }

  RtArray<RtString> fields;
  double count = SplitText("volume=80; music=on;; name=Zo\xeb", fields, "; ", 1);
  for (int i = 0; i < count; ++i) {
    RtString field = fields.At(i);
    double eq = FindText(field, "=");
    std::printf("%-8s -> %s\n", MidText(field, 0, eq).CStr(), UrlEncode(MidText(field, eq + 1)).CStr());
  }

  RtString save = EncryptText("my game key", "level=4;coins=310");
  std::printf("save: %s\nback: %s\n", save.CStr(), DecryptText("my game key", save).CStr());

  SeedRandom(2024);  // fixed seed: the same rolls on every run
  RtString rolls;
  for (int i = 0; i < 10; ++i) rolls += NumberText(1 + Random(5)) + " ";
  std::printf("dice: %s\n", TrimRightSet(rolls, " ").CStr());
  return 0;
}

void GameExitHook() {}
const FunctionNameEntry FunctionNameTable[] = {{nullptr, nullptr}};
