// sobranie-pack: the command-line tool that makes and checks work files.
#include "tools/PackTool.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return pack::run(QCoreApplication::arguments().mid(1), out, err);
}
