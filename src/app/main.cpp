// kxveldran: the window of the KX_VELDRAN programmer.

#include "app/programmer_app.h"

int main(int argc, char** argv) {
    return kx::app::RunProgrammerApp(argc, argv);
}
