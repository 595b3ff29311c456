#include "DateText.h"

#include <QLocale>

QString dateText(const QDateTime& when) {
    if (!when.isValid())
        return {};
    const QLocale locale;
    const QString date = locale.toString(when.date(), QLocale::ShortFormat);
    if (when.time() == QTime(0, 0))
        return date;
    QString format;
    bool quoted = false;
    for (const QChar c : locale.timeFormat(QLocale::LongFormat)) {
        if (c == u'\'')
            quoted = !quoted;
        if (!quoted && c == u't')
            continue;
        format += c;
    }
    return date + u' ' + locale.toString(when.time(), format.trimmed());
}
