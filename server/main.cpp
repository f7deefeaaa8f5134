#include "server/cloudprogram.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("shelvio-cloud"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SHELVIO_VERSION));
    CloudProgram program;
    return program.run(application);
}
