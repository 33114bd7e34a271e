// The ovrel executable: the game, configured by Setup.txt in the working folder.
#include "app/winmain.h"

int main() {
    return WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWDEFAULT);
}
