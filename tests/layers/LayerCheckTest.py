#!/usr/bin/env python3
"""Plants one forbidden include at a time in a copy of the tree and expects
scripts/check-layers to name it; a rules file whose layers form a cycle must
be refused. Usage: LayerCheckTest.py SOURCE_DIR"""

import os
import shutil
import subprocess
import sys
import tempfile

# (file, include planted at its top, words the report must contain)
FORBIDDEN = [
    ("core/markup/Annotation.h", "store/CaptureStore.h", "core/markup may not include core/store/CaptureStore.h"),
    ("core/common/Identifiers.h", "shell/AppNotifications.h", "core/common may not include app/shell/AppNotifications.h"),
    ("core/store/Database.h", "store/CaptureStore.h", "core/database may not include core/store/CaptureStore.h"),
    ("server/main.cpp", "store/CaptureStore.h", "server/root may not include core/store/CaptureStore.h"),
    ("server/storage/FolderBlobStore.cpp", "http/ApiServer.h", "server/storage may not include server/http/ApiServer.h"),
    ("mcp/main.cpp", "sync/SyncEngine.h", "mcp may not include core/sync/SyncEngine.h"),
    ("app/board/BoardView.cpp", "platform/x11/X11Platform.h", "app/board may not include app/platform/x11/X11Platform.h"),
    ("app/capture/ComposePanel.cpp", "shell/AppNotifications.h", "app/capture may not include app/shell/AppNotifications.h"),
    ("app/platform/Clock.h", "ui/Theme.h", "app/platform may not include app/ui/Theme.h"),
]


def copy_tree(source, target):
    skip = shutil.ignore_patterns("node_modules", "build", ".git")
    for top in ("core", "app", "server", "mcp", "ocr"):
        shutil.copytree(os.path.join(source, top), os.path.join(target, top), ignore=skip)
    os.makedirs(os.path.join(target, "scripts"))
    for name in ("check-layers", "layers.txt"):
        shutil.copy(os.path.join(source, "scripts", name), os.path.join(target, "scripts", name))


def check(tree):
    result = subprocess.run([sys.executable, os.path.join(tree, "scripts", "check-layers"), "--root", tree],
                            capture_output=True, text=True)
    return result.returncode, result.stdout + result.stderr


def main():
    failures = []
    with tempfile.TemporaryDirectory() as tree:
        copy_tree(sys.argv[1], tree)
        code, output = check(tree)
        if code != 0:
            print(output)
            print("the untouched copy must pass before anything is planted")
            return 1

        for path, header, expected in FORBIDDEN:
            file = os.path.join(tree, path)
            with open(file, encoding="utf-8") as f:
                original = f.read()
            with open(file, "w", encoding="utf-8") as f:
                f.write(f'#include "{header}"\n' + original)
            code, output = check(tree)
            if code != 1 or f"{path}:1: {expected}" not in output:
                failures.append(f"{path} including {header}: exit {code}, report:\n{output}")
            with open(file, "w", encoding="utf-8") as f:
                f.write(original)

        rules = os.path.join(tree, "scripts", "layers.txt")
        with open(rules, "a", encoding="utf-8") as f:
            f.write("core/common: core/sync\n")
        code, output = check(tree)
        if code != 2 or "must not form a cycle" not in output:
            failures.append(f"a cycle in the rules: exit {code}, report:\n{output}")

    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
