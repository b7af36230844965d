#pragma once
// Lookups in name trees: sorted string keys in leaf Names arrays, with Kids whose Limits say
// which keys each subtree holds.
#include "core/pdf_object.h"

namespace qm {

class PdfString;

// The value stored under `name` in the tree rooted at `node` (resolved), or null.
PdfObject lookupNameTree(const PdfObject& node, const PdfString& name);

}  // namespace qm
