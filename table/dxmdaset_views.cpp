// The memory table's side of the views: data sources, the record window of
// each link, notifications, and DisableControls/EnableControls.

#include <algorithm>

#include "table/dxmdaset.h"

void TdxMemData::AddDataSource(TDataSource* source)
{
    FDataSources.push_back(source);
}

void TdxMemData::RemoveDataSource(TDataSource* source)
{
    FDataSources.erase(std::remove(FDataSources.begin(), FDataSources.end(), source), FDataSources.end());
}

std::vector<TDataLink*> TdxMemData::AllLinks() const
{
    std::vector<TDataLink*> links;
    for (const TDataSource* source : FDataSources)
        links.insert(links.end(), source->FLinks.begin(), source->FLinks.end());
    return links;
}

void TdxMemData::FitWindow(TDataLink* link, TWindowMove how) const
{
    const int rows = RowCount();
    const int size = link->FBufferCount;
    const int current = CurrentRow();
    int first = link->FFirst;
    if (current >= 0) {
        switch (how) {
        case TWindowMove::Top:
            first = current;
            break;
        case TWindowMove::Bottom:
            first = current - size + 1;
            break;
        case TWindowMove::Centre:
            first = current - (size - 1) / 2;
            break;
        case TWindowMove::Follow:
            if (current < first)
                first = current;
            else if (current >= first + size)
                first = current - size + 1;
            break;
        }
    }
    // Keep the window filled: it never ends past the last row while rows
    // above it are left out.
    first = std::min(first, std::max(0, rows - size));
    link->FFirst = std::max(0, first);
}

TdxMemData::TScrolls TdxMemData::FitWindows(TWindowMove how)
{
    TScrolls scrolls;
    for (const TDataSource* source : FDataSources)
        for (TDataLink* link : source->FLinks) {
            const int before = link->FFirst;
            FitWindow(link, how);
            scrolls.emplace_back(link, link->FFirst - before);
        }
    return scrolls;
}

void TdxMemData::RefitWindows(TWindowMove how) const
{
    // Fitting calls no one back, so the links can be walked where they are.
    for (const TDataSource* source : FDataSources)
        for (TDataLink* link : source->FLinks)
            FitWindow(link, how);
}

void TdxMemData::NotifyLinks(const std::function<void(TDataLink*)>& notify)
{
    if (FDisableCount > 0)
        return;
    for (TDataLink* link : AllLinks())
        notify(link);
}

void TdxMemData::RecordsChanged(bool stateChanged)
{
    RefitWindows(TWindowMove::Follow);
    NotifyLinks([stateChanged](TDataLink* link) {
        if (stateChanged)
            link->StateChanged();
        link->DataSetChanged();
    });
}

void TdxMemData::NotifyScrolled(const TScrolls& scrolls)
{
    if (FDisableCount > 0)
        return;
    for (const auto& [link, distance] : scrolls)
        link->DataSetScrolled(distance);
}

void TdxMemData::FieldLayoutChanged()
{
    NotifyLinks([](TDataLink* link) { link->LayoutChanged(); });
}

void TdxMemData::DisableControls()
{
    if (FDisableCount++ == 0) {
        FDisableState = FState;
        FStateChangedWhileDisabled = false;
    }
}

void TdxMemData::EnableControls()
{
    if (FDisableCount == 0 || --FDisableCount > 0)
        return;
    const bool wasActive = FDisableState != dsInactive;
    if (FState != FDisableState)
        NotifyLinks([](TDataLink* link) { link->StateChanged(); });
    if (Active() && wasActive) {
        RefitWindows(TWindowMove::Follow);
        if (FStateChangedWhileDisabled)
            NotifyLinks([](TDataLink* link) { link->LayoutChanged(); });
        else
            NotifyLinks([](TDataLink* link) { link->DataSetChanged(); });
    } else if (Active() != wasActive) {
        RefitWindows(TWindowMove::Top);
        NotifyLinks([](TDataLink* link) { link->ActiveChanged(); });
    }
}
