// A widget's own semantic bindings come before its children's, so a container that is itself a
// control (a switch with a label inside) reports its own binding first.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "kaso/ui/Widget.h"

namespace {

using kaso::actions::ActionAddress;
using kaso::actions::ControlBinding;

class BoundWidget final : public kaso::ui::Widget {
public:
    explicit BoundWidget(std::string name)
        : m_name(std::move(name))
    {
    }
    std::vector<ControlBinding> semantic_action_bindings() const override
    {
        if (m_name.empty())
            return {};
        return { ControlBinding { m_name, ActionAddress { "test:" + m_name, "fire" }, m_name } };
    }
    void for_each_child(std::function<void(kaso::ui::Widget&)> const& visit) override
    {
        for (auto& child : children)
            visit(*child);
    }
    std::vector<std::unique_ptr<BoundWidget>> children;

private:
    std::string m_name;
};

std::vector<std::string> control_ids(kaso::ui::Widget const& widget)
{
    std::vector<std::string> ids;
    for (auto const& binding : widget.control_action_bindings())
        ids.push_back(binding.control_id);
    return ids;
}

TEST(ActionBindings, OwnBindingsComeBeforeTheChildrensInTreeOrder)
{
    BoundWidget root("switch");
    root.children.push_back(std::make_unique<BoundWidget>("label"));
    auto unbound = std::make_unique<BoundWidget>("");
    unbound->children.push_back(std::make_unique<BoundWidget>("inner"));
    root.children.push_back(std::move(unbound));
    root.children.push_back(std::make_unique<BoundWidget>("last"));
    EXPECT_EQ(control_ids(root), (std::vector<std::string> { "switch", "label", "inner", "last" }));
    EXPECT_TRUE(control_ids(BoundWidget("")).empty());
}

}
