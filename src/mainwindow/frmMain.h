#pragma once
// Placeholder until the main window lands.
