#pragma once
// The category names with a meaning of their own. They are compared as exact
// UTF-8 byte strings, like every other category name.

/// Row 0 of every category list; as a choice it matches every name of its
/// level. It can be neither added nor deleted.
constexpr char kCategoryAll[] = "＜すべて＞";
/// The default category: the name of the first triple of a new library and the
/// stand-in for kCategoryAll when a triple is formed from the current choices.
/// Always sorted after every other name; never deleted.
constexpr char kCategoryOther[] = "その他";
/// The reassignment dialog's marker for "leave this level's name as it is".
constexpr char kCategoryNoChange[] = "＜変更しない＞";

static_assert(sizeof(kCategoryAll) == 16, "15 bytes of UTF-8 and a zero");
static_assert(sizeof(kCategoryOther) == 10, "9 bytes of UTF-8 and a zero");
static_assert(sizeof(kCategoryNoChange) == 22, "21 bytes of UTF-8 and a zero");
