#pragma once

#include <QImage>
#include <QString>

#include <optional>

namespace launcher::testing {

// Fusion style, the bundled fonts ("DejaVu Sans" with "WenQuanYi Micro Hei"
// for Chinese) at 10 pt, and a device pixel ratio of 1, so widget pictures
// are the same on every machine. Call before the first widget is made.
void pinLookForPictures();

// The references hold Debian's fonts and the bundled symbols; macOS draws
// with its own, so pictures are compared only on Linux. Everything else that
// a picture test checks runs everywhere.
bool referencePicturesApply();

// Compares a picture with tests/<relativePath>.png (LAUNCHER_UPDATE_REFERENCES=1
// writes it instead); elsewhere than Linux, absent without comparing. Absent when they agree within the tolerance, else why
// not; the picture drawn is then saved beside the test binaries.
std::optional<QString> differenceFromReference(const QImage& actual, const QString& relativePath, int tolerance = 3);

} // namespace launcher::testing

// Inside a test function.
#define LAUNCHER_COMPARE_WITH_REFERENCE(image, relativePath)                                                      \
    do {                                                                                                         \
        const std::optional<QString> why = ::launcher::testing::differenceFromReference((image), (relativePath)); \
        if (why)                                                                                                 \
            QFAIL(qPrintable(*why));                                                                             \
    } while (false)
