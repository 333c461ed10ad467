#pragma once
// The editable combo boxes in which a category name is picked or typed.

class QComboBox;

/// Makes `combo` take category names: editable, a typed name is never added
/// to the items nor completed from them (completion ignores case, and names
/// compare exactly), and typing stops where a name would no longer fit a
/// category record (CategoryNameFits), so no typed name is lost at saving.
void PrepareCategoryComboBox(QComboBox* combo);
