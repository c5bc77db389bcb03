#include "loginitem.h"

std::unique_ptr<LoginItem> makeLoginItem(const QString &)
{
    return std::make_unique<NullLoginItem>();
}
