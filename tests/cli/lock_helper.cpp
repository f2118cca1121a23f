// Holds a data folder's single-copy lock as a running window would, until
// its standard input closes or the given milliseconds have passed.
#include "app/instance_lock.h"

#include <QCoreApplication>
#include <QThread>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3)
        return 2;
    rv::InstanceLock lock(QString::fromLocal8Bit(argv[1]));
    if (!lock.acquire())
        return 1;
    std::printf("locked\n");
    std::fflush(stdout);
    QThread::msleep(static_cast<unsigned long>(QByteArray(argv[2]).toLong()));
    lock.release();
    return 0;
}
