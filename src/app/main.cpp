// Kelvane: the desktop program.
#include "app/startup.h"

int main(int argc, char** argv) {
    return kelvane::app::RunKelvane(argc, argv);
}
