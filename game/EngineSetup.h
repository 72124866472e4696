#pragma once

// Switches on the process-wide engine settings the program plays with: the world is z up, polygon
// records come from pooled blocks and tooltips that start with "<body" show as HTML. The main
// routine calls it once before the launcher opens, and so does every test that runs the game, so
// both run the same engine. Main thread only; the settings cannot be switched back.
void setUpEngine();
