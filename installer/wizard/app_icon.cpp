#include "wizard/app_icon.hpp"

#include <utility>

namespace installer {
namespace {

std::function<HICON()>& slot()
{
    static std::function<HICON()> provider;
    return provider;
}

} // namespace

void set_app_icon_provider(std::function<HICON()> provider)
{
    slot() = std::move(provider);
}

HICON app_icon()
{
    const auto& provider = slot();
    return provider ? provider() : nullptr;
}

} // namespace installer
