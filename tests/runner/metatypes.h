// Types that the data tables of tests in several files carry. They are
// declared once here: a folder's test files are compiled together in batches,
// and a second declaration of the same type in one unit does not compile.
#pragma once

#include "pricing/engine.h"

#include <QMetaType>

#include <string>

Q_DECLARE_METATYPE(fapkalk::CalcOptions)
Q_DECLARE_METATYPE(std::string)
