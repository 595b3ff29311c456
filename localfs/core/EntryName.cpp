#include "EntryName.h"

bool isPlainName(const QString& name) {
    return !name.contains(u'/') && !name.contains(u'\\') && name != u"." && name != u"..";
}
