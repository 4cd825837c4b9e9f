#pragma once
// Interim song grid, used until the record grid is in the tree; it offers
// the few members the window uses.

#include <string>

#include "forms/control.h"

class TDataSource;

namespace interim {

class TdxDBGrid : public TControl {
public:
    explicit TdxDBGrid(TComponent* AOwner);
    TDataSource* DataSource() const { return FDataSource; }
    void SetDataSource(TDataSource* value) { FDataSource = value; }
    TNotifyEvent OnDblClick;

private:
    TDataSource* FDataSource = nullptr;
};

}  // namespace interim

using interim::TdxDBGrid;
