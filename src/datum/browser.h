// The datum browser's model: the categories of the class list and the trimmed cards as one
// tree, the card shown, and stepping through the cards in index order.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/prompter.h"
#include "xmldoc/xml.h"

namespace pim {

class DatumBrowser {
 public:
  static constexpr int kRoot = -1;

  // One tree item, in the order the tree gets them; its number is its place here.
  struct TreeItem {
    std::string text;
    int parent = kRoot;
  };
  struct Category {
    std::string fullName;
    std::string label;
    int item = kRoot;
    int parentItem = kRoot;
  };
  struct Card {
    std::string name;
    std::string url;
    std::string class_;
    int item = kRoot;
    int parentItem = kRoot;
  };
  struct Page {
    std::string header;
    std::string content;
  };

  // `folder` holds "class.list" and "lineindex.list" ("datum").
  explicit DatumBrowser(std::string folder) : folder_(std::move(folder)) {}

  // Reads both files once; a missing one gives no categories or no cards, silently.
  void Build(Prompter& prompter);
  // Builds again (after a restore): the tree item of the card shown before, where the new
  // tree still holds it, else kRoot.
  int Rebuild(Prompter& prompter);
  // The card of a tree item, read from its file; it becomes the current card. Nothing for a
  // category item or a card without a file name: both fields then stay as they were.
  std::optional<Page> Show(int item, Prompter& prompter);
  // The tree item to select for "←" and "→", or kRoot when there is none.
  int PreviousItem() const;
  int NextItem() const;

  // The tree item of the card at `url`, or kRoot when the tree lacks it.
  int ItemOf(std::string_view url) const;

  static std::string HeaderText(const DatumRecord& card);

  const std::vector<TreeItem>& items() const { return items_; }
  const std::vector<Category>& categories() const { return categories_; }
  const std::vector<Card>& cards() const { return cards_; }
  int current() const { return current_; }

 private:
  int AddItem(const std::string& text, int parent);

  std::string folder_;
  std::vector<TreeItem> items_;
  std::vector<Category> categories_;
  std::vector<Card> cards_;
  int current_ = -1;  // index into cards_
};

}  // namespace pim
