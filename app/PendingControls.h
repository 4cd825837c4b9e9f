#pragma once
// Interim song grid and folder tree, used until the record grid and the
// shell folder tree are in the tree; they offer the few members the window
// uses.

#include <string>

#include "forms/control.h"

class QFileSystemModel;
class QTreeView;
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

class TShellTreeView : public TControl {
public:
    explicit TShellTreeView(TComponent* AOwner);
    // The selected folder's path, "" when none is selected.
    std::string SelectedFolderPath() const;
    // Selects a folder by its path (tests and the program's start).
    void SetSelectedFolderPath(const std::string& path);

private:
    QTreeView* Tree() const;
    QFileSystemModel* FModel = nullptr;
};

}  // namespace interim

using interim::TdxDBGrid;
using interim::TShellTreeView;
