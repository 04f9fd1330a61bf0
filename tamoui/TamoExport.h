#pragma once

#include <QtGlobal>

#if defined(TAMOUI_LIBRARY)
#define TAMOUI_EXPORT Q_DECL_EXPORT
#else
#define TAMOUI_EXPORT Q_DECL_IMPORT
#endif
