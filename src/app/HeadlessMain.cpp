#include "monitor/Headless.h"

// The monitor alone: linked without any GUI library, so that a box with no
// desktop maps none. `talvor --headless` becomes this program.
int main(int argc, char *argv[])
{
    return runHeadless(argc, argv);
}
