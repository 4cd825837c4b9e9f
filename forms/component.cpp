#include "forms/component.h"

#include <algorithm>

TComponent::TComponent(TComponent* AOwner) : FOwner(AOwner)
{
    if (FOwner)
        FOwner->InsertComponent(this);
}

TComponent::~TComponent()
{
    // Free the owned components, newest first; each one unlinks itself.
    while (!FComponents.empty())
        delete FComponents.back();
    if (FOwner)
        FOwner->RemoveComponent(this);
}

TComponent* TComponent::FindComponent(const std::string& name) const
{
    for (TComponent* component : FComponents)
        if (component->Name() == name)
            return component;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* component)
{
    FComponents.push_back(component);
}

void TComponent::RemoveComponent(TComponent* component)
{
    auto it = std::find(FComponents.begin(), FComponents.end(), component);
    if (it != FComponents.end())
        FComponents.erase(it);
}
