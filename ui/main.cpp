#include <cstdio>

// The desktop window is not built yet; the program says so and ends.
int main() {
    std::puts("Petitora: the desktop window is not built yet.");
    return 0;
}
