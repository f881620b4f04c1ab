#include "AppIcon.h"

static void registerResources()
{
    // The resources live in a static library: they must be registered by hand.
    Q_INIT_RESOURCE(brisk);
}

QIcon appIcon()
{
    registerResources();
    return QIcon(QStringLiteral(":/brisk/icon.png"));
}
