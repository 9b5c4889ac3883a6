// Writes the product's logo as a PNG file, the icon of the desktop entry.
#include "Logo.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: tallowick-write-logo FILE.png\n");
        return 2;
    }
    return tallowick::logoImage().save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
