// The graphical entry point. The Player has been built by its static initialiser by now.

#include "saver/Host.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    cinefold::hostEntry();
}
