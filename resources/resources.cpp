// Keeps the resource object library non-empty while no .qrc file exists.
