#pragma once

class wxWindow;

/// The gallery page of the list and tree controls: a tree of 100,000 items
/// beside a list of 100,000 rows, with a line that tells the selection.
wxWindow* makeListsPage(wxWindow* parent);
