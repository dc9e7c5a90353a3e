#include "platform/linux/LinuxBeep.h"

#include <QApplication>

namespace launcher {

void LinuxBeep::beep()
{
    QApplication::beep();
}

} // namespace launcher
