# Sourced by the scripts that run a program on a virtual display. Gives a
# private folder in $work and an Xvfb server exported as DISPLAY, and ends the
# program whose pid is in $program, the server and the folder on any exit.
work=$(mktemp -d)
program=""
cleanup() {
  [ -n "${program:-}" ] && kill "$program" 2>/dev/null || true
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

# Xvfb picks a free display number and writes it to the fifo when ready.
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
read -r number <"$work/display"
export DISPLAY=":$number"
