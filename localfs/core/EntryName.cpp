#include "EntryName.h"

bool IsPlainName(const QString& name) {
    return !name.contains(u'/') && !name.contains(u'\\') && name != u"." && name != u"..";
}
