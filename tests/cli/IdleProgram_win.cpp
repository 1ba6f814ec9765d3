// Stays until it is ended: the running game for the game-running refusal.
#include <windows.h>

int main() {
  Sleep(INFINITE);
  return 0;
}
