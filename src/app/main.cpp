// The converter's window program.
#include "app/ui/Application.h"

int main(int argc, char** argv) { return zanto::app::RunProgram(argc, argv); }
