#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

#include "quorvane-img/ImgCommand.h"

int main(int argc, char** argv) {
    // No GUI application: the tool runs anywhere, display or not.
    QCoreApplication application(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return imgtool::run(QCoreApplication::arguments().mid(1), out, err);
}
