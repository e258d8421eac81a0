#include "app/application.h"

#include <cstdlib>

int main(int, char*[]) {
    if (!init())
        return EXIT_FAILURE;
    runMainLoop();
    teardown();
    return 0;
}
