#pragma once

class wxWindow;

/// The gallery page of the form controls: text boxes, check boxes, combo
/// boxes, a number box with its spin button, buttons with a menu and the
/// script editor, laid out like an inspector.
wxWindow* makeControlsPage(wxWindow* parent);
