#pragma once
// Placeholder until the picture editor control lands.
