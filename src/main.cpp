// Tarvello rewrites ai.obj into ai_fixed.obj; see the README.
#include "driver/conversion.h"

int main() { return tarvello::run_conversion(); }
