// Prints the program folder as the platform layer finds it: the bytes in
// hex, the text shown for them, and whether that text names the same folder.
#include "platform/System.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const platform::NativePath folder = platform::programFolder();
    std::printf("%s\n%s\n%s\n", folder.native().toHex().constData(), folder.text().toUtf8().constData(),
                folder.hasExactText() ? "exact" : "not exact");
    return 0;
}
