// Printer pictures packaged with the program, found by name ("HVCA_LSide", "ZEV_HV_Series",
// "ZEV_QX_Series").
#pragma once

#include <QImage>
#include <QString>

namespace platform {

// The packaged picture of that name, or a null image when the name is empty or unknown.
QImage printerPicture(const QString& name);

} // namespace platform
