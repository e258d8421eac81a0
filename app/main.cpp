#include "app/application.h"

int main(int, char*[]) {
    if (!init())
        return 0;
    runMainLoop();
    teardown();
    return 0;
}
