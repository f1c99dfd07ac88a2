#include "hotrune/bindings.h"

#include "hotrune/notify.h"

namespace hotrune {

BindingPlan PlanBindings(const std::vector<StoredRecord>& records) {
    BindingPlan plan;
    for (const StoredRecord& record : records) {
        if (!record.wellFormed || record.mapping.target[0] == '\0') {
            plan.problems.push_back("Shortcut number " + std::to_string(record.index + 1) +
                                    " (\"" + Abbreviated(record.text) +
                                    "\"): the stored text is damaged. Remove it with Runeset "
                                    "and add it again.");
            continue;
        }
        Hotkey hotkey;
        if (!HotkeyFor(record.mapping, hotkey)) {
            plan.problems.push_back(keymap::ShortcutText(record.mapping) + " (" +
                                    Abbreviated(record.mapping.target) + "): the key (code " +
                                    std::to_string(record.mapping.key) +
                                    ") is not one a shortcut can use.");
            continue;
        }
        Binding* existing = nullptr;
        for (Binding& b : plan.bindings) {
            if (b.hotkey.modifiers == hotkey.modifiers && b.hotkey.vk == hotkey.vk) {
                existing = &b;
                break;
            }
        }
        if (!existing) {
            plan.bindings.push_back(Binding{hotkey, keymap::ShortcutText(record.mapping), {}});
            existing = &plan.bindings.back();
        }
        existing->targets.emplace_back(record.mapping.target);
    }
    return plan;
}

std::string DescribeBinding(const Binding& binding) {
    std::string text = binding.shortcutText + " (";
    for (size_t i = 0; i < binding.targets.size(); ++i) {
        if (i) text += ", ";
        text += binding.targets[i];
    }
    return text + ")";
}

}  // namespace hotrune
