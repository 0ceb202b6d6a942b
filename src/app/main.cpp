#include <QCoreApplication>
#include <QTextStream>

// Until the main window lands, the program says plainly that there is nothing to show yet.
int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QTextStream(stderr) << "Kovara: a janela principal ainda não foi construída nesta versão.\n";
    return 1;
}
