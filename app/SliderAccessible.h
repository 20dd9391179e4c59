#pragma once

// Makes screen readers see a parameter slider as what the panel shows: its meaning as name and
// the parameter byte 0..255 as value, not the scroll bar's own (possibly reversed) position.
// Safe to call more than once.
void installSliderAccessibility();
