// vantor: the command line for planning case-control association studies.
#include "front/vantor/run.h"

int main(int argc, char **argv) { return vantor_cli::run_vantor(argc, argv); }
