#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "forms/component.h"

namespace {

std::vector<std::string> freed;

class Probe : public TComponent {
public:
    Probe(TComponent* owner, std::string name) : TComponent(owner) { SetName(std::move(name)); }
    ~Probe() override { freed.push_back(Name()); }
};

TEST(Component, OwnerFreesItsComponentsNewestFirst)
{
    freed.clear();
    {
        Probe form(nullptr, "frmMain");
        new Probe(&form, "Timer1");
        auto* table = new Probe(&form, "dxMemData");
        new Probe(table, "dxMemDataFileName");
        EXPECT_EQ(form.ComponentCount(), 2);
        EXPECT_EQ(form.FindComponent("dxMemData"), table);
        EXPECT_EQ(form.FindComponent("nothing"), nullptr);
    }
    // Each destructor body runs before the components it owns are freed.
    EXPECT_EQ(freed, (std::vector<std::string>{"frmMain", "dxMemData", "dxMemDataFileName", "Timer1"}));
}

TEST(Component, FreeingAComponentRemovesItFromItsOwner)
{
    freed.clear();
    Probe form(nullptr, "frmMain");
    auto* player = new Probe(&form, "FPlayer");
    delete player;
    EXPECT_EQ(form.ComponentCount(), 0);
    EXPECT_EQ(freed, std::vector<std::string>{"FPlayer"});
}

}  // namespace

namespace {

TEST(Events, AHandlerMayClearTheEventItRunsFrom)
{
    TObject sender;
    TNotifyEvent OnChange;
    std::string seen = "not run";
    OnChange = [&, text = std::string("captured state")](TObject*) {
        OnChange = nullptr;  // destroys the stored handler while it runs
        seen = text;         // its captures must still be alive
    };
    Fire(OnChange, &sender);
    EXPECT_EQ(seen, "captured state");
    EXPECT_FALSE(OnChange);
}

}  // namespace
