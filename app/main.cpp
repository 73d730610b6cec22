#include <cstdio>

// The main window does not exist yet; until it does, the program only says so.
int main()
{
    std::puts("Parvello Jr.: the tone engine is built, but there is no window yet.");
    return 0;
}
