#include "application.h"
#include "frmprinter.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(ApplicationTitle);
    QApplication::setApplicationDisplayName(ApplicationTitle);

    // The list file, the logo and the pictures sit next to the program.
    frmPrinter window(QCoreApplication::applicationDirPath());
    window.show();
    return QApplication::exec();
}
