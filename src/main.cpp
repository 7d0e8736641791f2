// Tarvello rewrites ai.obj into ai_fixed.obj; see the README.
#include "driver/conversion.h"

int main(int argc, char **argv) { return tarvello::run_conversion(argc, argv); }
