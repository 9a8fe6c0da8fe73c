#include "app/program.h"

int main(int argc, char** argv) { return kelvatrix::RunProgram(argc, argv); }
