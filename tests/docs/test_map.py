"""CONTRIBUTING.md's source layout names every room of the house: each
folder that holds product sources, and each source file in it, unless the
folder's own README.md names that file. A file added without a word on
where it belongs fails here."""
import os
import re
import sys
import unittest

SOURCE = os.path.abspath(sys.argv.pop(1) if len(sys.argv) > 1 else ".")

# What is not a product folder: tests, tools and what builds them.
NOT_PRODUCT = {"build", "tests", "fuzz", "bench", "cmake", "scripts", "kit", "docs"}
SOURCE_FILE = re.compile(r"\.(cpp|h|h\.in)$")


def product_folders(root):
    for folder, subfolders, names in os.walk(root):
        subfolders[:] = sorted(d for d in subfolders
                               if not d.startswith(".") and not (folder == root and d in NOT_PRODUCT))
        sources = sorted(n for n in names if SOURCE_FILE.search(n))
        if sources:
            yield os.path.relpath(folder, root).replace(os.sep, "/"), sources


def named(text, name):
    """A file is named with its pair: `thing.cpp` names `thing.h` too, as
    does `thing.{h,cpp}` or `thing.*`."""
    stem = name.split(".", 1)[0]
    return re.search(r"(?<![\w/.])%s\.(cpp|h|[{*])" % re.escape(stem), text)


def unnamed(root):
    with open(os.path.join(root, "CONTRIBUTING.md"), encoding="utf-8") as f:
        contributing = f.read()
    missing = []
    for folder, sources in product_folders(root):
        if "`%s/`" % folder not in contributing and "(%s/README.md)" % folder not in contributing:
            missing.append(folder + "/")
        readme = os.path.join(root, folder, "README.md")
        own = ""
        if os.path.isfile(readme):
            with open(readme, encoding="utf-8") as f:
                own = f.read()
        missing += [folder + "/" + name for name in sources
                    if not named(contributing, name) and not named(own, name)]
    return missing


class Map(unittest.TestCase):
    def test_every_product_folder_and_source_file_is_named(self):
        self.assertEqual([], unnamed(SOURCE))

    def test_a_file_is_named_by_itself_or_its_pair_and_not_by_a_longer_name(self):
        for text, name, found in (("`settings.cpp`", "settings.cpp", True),
                                  ("`settings.cpp`", "settings.h", True),
                                  ("`settings.{h,cpp}`", "settings.h", True),
                                  ("`fake_locks.*`", "fake_locks.h", True),
                                  ("`settings_echo.cpp`", "settings.cpp", False),
                                  ("`module_settings.cpp`", "settings.cpp", False),
                                  ("`updater/settings.h`", "settings.h", False)):
            self.assertEqual(found, bool(named(text, name)), (text, name))


if __name__ == "__main__":
    unittest.main()
