#include "app/kelvarn.h"
#include "console/console.h"

int main(int argc, char** argv) {
  console_open();
  return kelvarn_main(argc, argv);
}
