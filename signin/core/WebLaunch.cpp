#include "WebLaunch.h"

#include "Service.h"

namespace {

constexpr int kNoAssociation = 31;

}  // namespace

QString browserFailureText(int result, const QString& address) {
    if (result < kNoAssociation)
        return QStringLiteral(
                   "Problem running your web browser. Please check to "
                   "ensure that your browser is correctly installed.") +
               QStringLiteral("\rError ") + QString::number(result) + u')';
    if (result == kNoAssociation)
        return applicationTitle() + QStringLiteral(" could not find a file association for ") +
               address + QStringLiteral(" on your system.") +
               QStringLiteral(
                   "Please check to ensure that your browser is correctly "
                   "installed and associated with this type of file.");
    return {};
}
