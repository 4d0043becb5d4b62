// Placeholder translation unit so the engine's source list is never empty.
