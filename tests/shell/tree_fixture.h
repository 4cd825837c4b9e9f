#pragma once
// A folder tree over a namespace whose home, mount table and shares live in a
// temporary folder, shown offscreen, with its clicks and error boxes recorded.

#include <dirent.h>

#include <QApplication>
#include <QTreeView>
#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "forms/application.h"
#include "shell/ShellCtrls.h"
#include "shell/contextmenu.h"
#include "tests/shell/temp_folder.h"

class ShellTreeTest : public ::testing::Test {
protected:
    TempFolder temp;
    std::unique_ptr<TShellTreeView> tree;
    std::vector<std::string> boxes;
    std::set<std::string> unreadable;
    int clicks = 0;

    void SetUp() override
    {
        temp.Folder("home");
        temp.File("mounts");
        shell::TNamespaceOptions options;
        options.Home = temp / "home";
        options.MountsFile = temp / "mounts";
        options.UserSharesDir = temp / "shares";
        options.OpenDirectory = [this](const char* path) -> DIR* {
            if (unreadable.count(path)) {
                errno = EACCES;
                return nullptr;
            }
            return ::opendir(path);
        };
        FinalizeShell();
        shell::SetCurrentNamespace(std::make_shared<shell::TLinuxNamespace>(options));
        InitializeShell();
        Application->SetMessageBoxHook([this](const std::string&, const std::string& text) { boxes.push_back(text); });
        tree = std::make_unique<TShellTreeView>(nullptr);
        tree->OnClick = [this](TObject* sender) {
            EXPECT_EQ(sender, tree.get());
            ++clicks;
        };
        tree->SetShowRoot(false);
        tree->SetRightClickSelect(true);
        tree->SetIndent(19);
        tree->Widget()->resize(320, 480);
    }

    void TearDown() override
    {
        tree.reset();
        shell::ShellHooks() = {};
        Application->SetMessageBoxHook(nullptr);
        FinalizeShell();
        shell::SetCurrentNamespace(nullptr);
    }

    void Show()
    {
        tree->Widget()->show();
        Settle();
    }
    // Lets queued work and the view's delayed layout happen.
    void Settle()
    {
        QApplication::processEvents();
        tree->TreeView()->doItemsLayout();
        QApplication::processEvents();
    }

    static TTreeNode* Child(TTreeNode* node, const std::string& text)
    {
        for (int i = 0; node && i < node->Count(); ++i)
            if (node->Item(i)->Text() == text)
                return node->Item(i);
        return nullptr;
    }
    static std::vector<std::string> Texts(TTreeNode* node)
    {
        std::vector<std::string> texts;
        for (int i = 0; node && i < node->Count(); ++i)
            texts.push_back(node->Item(i)->Text());
        return texts;
    }
    // The tree rooted at a folder of the temporary folder.
    TTreeNode* RootAt(const std::string& relative)
    {
        tree->SetRoot(temp / relative);
        return tree->TopItem();
    }
};
