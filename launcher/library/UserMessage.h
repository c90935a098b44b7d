#pragma once
// The text a failure shows to the user: the core's and the platform's Russian messages as they are,
// and a Russian description for errors of the operating system (whose own texts are English).
#include <exception>

#include <QString>

namespace novra {

QString userMessage(const std::exception& error);
// The same for a captured exception; the cancellation error gives an empty text.
QString userMessage(std::exception_ptr error);

} // namespace novra
