// sobranie-pack: the command-line tool that makes and checks work files.
#include "platform/FileIdentity.h"
#include "platform/System.h"
#include "tools/PackTool.h"

#include <QCoreApplication>
#include <QFile>

int main(int argc, char *argv[])
{
    // Before anything opens a file: a stream the tool was started without
    // must not lend its number to one.
    const bool inOpen = platform::holdStandardStream(0);
    const bool outOpen = platform::holdStandardStream(1);
    const bool errOpen = platform::holdStandardStream(2);
    QCoreApplication app(argc, argv);
    // Work files are bytes, CR LF included, whatever the platform.
    platform::useBinaryStandardStreams();
    // Unbuffered: the tool writes its output in large pieces of its own, and
    // messages go out in the order they are made.
    QFile in;
    QFile out;
    QFile err;
    if (inOpen)
        (void)in.open(0, QIODevice::ReadOnly);
    if (outOpen)
        (void)out.open(1, QIODevice::WriteOnly | QIODevice::Unbuffered);
    if (errOpen)
        (void)err.open(2, QIODevice::WriteOnly | QIODevice::Unbuffered);
    pack::Streams io{in, out, err, platform::regularFileIdentity(0), platform::regularFileIdentity(1)};
    return pack::run(platform::commandLineArguments(argc, argv), io);
}
