#include "app/ui/PrincipalApp.h"
#include "platform/ProgramVersion.h"
#include "platform/ui/DesktopApp.h"

#include <QApplication>

int main(int argc, char** argv) {
    if (ProgramVersion::AnswerVersion({argv + 1, argv + argc}, "quintaleva"))
        return 0;
    if (!CheckDesktopSession(argc, argv))
        return 1;
    QApplication app(argc, argv);
    SetUpDesktopApplication();
    QApplication::setDesktopFileName(QStringLiteral("quintaleva"));
    CPrincipalApp principal;
    return principal.run();
}
