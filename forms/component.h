#pragma once
// Components have a name and an owner. An owner frees the components it owns,
// newest first, when it is freed itself.

#include <memory>
#include <string>
#include <vector>

#include "forms/object.h"

class TComponent : public TObject {
public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;

    TComponent* Owner() const { return FOwner; }
    const std::string& Name() const { return FName; }
    void SetName(const std::string& value) { FName = value; }

    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    TComponent* Components(int index) const { return FComponents.at(index); }
    // The owned component of that name (exact match), or nullptr.
    TComponent* FindComponent(const std::string& name) const;

    // Called by the design loader once every design value has been set.
    virtual void Loaded() {}

private:
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);

    TComponent* FOwner = nullptr;
    std::string FName;
    std::vector<TComponent*> FComponents;
};
