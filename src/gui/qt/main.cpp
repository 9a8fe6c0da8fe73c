#include "gui/qt/qt_program.h"

int main(int argc, char** argv) { return kelvatrix::RunProgram(argc, argv); }
