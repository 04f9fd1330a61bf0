#include "app/NavigationRules.h"

namespace {

const SModeGeometry kFull{{375, 225}, 0, {5, 27, 365, 195}, {375, 225}};
const SModeGeometry kHalf{{190, 225}, 0, {2, 27, 185, 195}, {190, 225}};
const SModeGeometry kHalfMovedRight{{190, 225}, 190, {2, 27, 185, 195}, {190, 225}};
const SModeGeometry kFullMovedLeft{{375, 225}, -190, {5, 27, 365, 195}, {375, 225}};

const SNavigationRule kMainRules[] = {
    {"event/new", ENavAction::QuickAddEvent, {}, nullptr},
    {"?cursor=", ENavAction::ToolTip, {}, nullptr},
    {"todo/new", ENavAction::QuickAddTodo, {}, nullptr},
    {"mode=max", ENavAction::Mode, kFull, nullptr},
    {"mode=righthide", ENavAction::Mode, kHalf, nullptr},
    {"mode=rightshow", ENavAction::Mode, kFull, nullptr},
    {"mode=lefthide", ENavAction::Mode, kHalfMovedRight, nullptr},
    {"mode=leftshow", ENavAction::Mode, kFullMovedLeft, nullptr},
    {"#today_schedule", ENavAction::ServicePage, {}, "/#today_schedule"},
    {"#receive_invitation", ENavAction::ServicePage, {}, "/#receive_invitation"},
    {"#todo_view", ENavAction::ServicePage, {}, "/#todo_view"},
};

}  // namespace

std::span<const SNavigationRule> MainViewRules()
{
    return kMainRules;
}

std::span<const SNavigationRule> ToolTipRules()
{
    return std::span<const SNavigationRule>(kMainRules, 1);
}

const SNavigationRule* MatchNavigation(std::span<const SNavigationRule> rules, const QString& url)
{
    for (const SNavigationRule& rule : rules)
        if (url.contains(QLatin1String(rule.contains)))
            return &rule;
    return nullptr;
}
