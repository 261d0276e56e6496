"""The guide's checker finds what it must: each fault class on a small made-up tree."""
import os
import stat
import subprocess
import sys
import tempfile
import textwrap
import time
import unittest

CHECKER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "check_docs.py")

GOOD_GUIDE = textwrap.dedent("""\
    # Guide

    See [the other page](other.md#second-part) and [the top](#guide).

    <!-- file: docs/examples/hello.sh -->
    ```sh
    echo hello
    ```

    <!-- run: hello -->
    ```sh
    sh docs/examples/hello.sh
    echo "2024-5-17 09:03:12 - INFO - stamped"
    ```

    <!-- output: hello -->
    ```text
    hello
    2031-12-1 23:59:59 - INFO - stamped
    ```

    <!-- generated: table -->

    | a | b |
    |---|---|

    <!-- end generated -->
    """)


class Tree:
    """A repository with README.md, docs/guide.md, docs/other.md, one example and a
    generator that prints a table."""

    def __init__(self, guide=GOOD_GUIDE):
        self.folder = tempfile.TemporaryDirectory()
        self.root = self.folder.name
        self.write("README.md", "# Top\n\n[Guide](docs/guide.md)\n")
        self.write("docs/guide.md", guide)
        self.write("docs/other.md", "# Other\n\n## Second part\n")
        self.write("docs/examples/hello.sh", "echo hello\n")
        self.generator = self.write("generator", "#!/bin/sh\nprintf '| a | b |\\n|---|---|\\n'\n")
        os.chmod(self.generator, stat.S_IRWXU)
        self.build = os.path.join(self.root, "build-tree")
        os.mkdir(self.build)

    def write(self, relative, text):
        path = os.path.join(self.root, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)
        return path

    def read(self, relative):
        with open(os.path.join(self.root, relative), encoding="utf-8") as f:
            return f.read()

    def check(self, *arguments):
        result = subprocess.run([sys.executable, CHECKER] + list(arguments),
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        return result.returncode, result.stdout.decode()

    def close(self):
        self.folder.cleanup()


class CheckerTest(unittest.TestCase):
    def tree(self, guide=GOOD_GUIDE):
        tree = Tree(guide)
        self.addCleanup(tree.close)
        return tree

    def test_a_true_guide_passes_every_check(self):
        tree = self.tree()
        self.assertEqual(tree.check("files", tree.root), (0, ""))
        self.assertEqual(tree.check("generated", tree.root, tree.generator), (0, ""))
        status, output = tree.check("run", tree.root, tree.build, "hello")
        self.assertEqual(status, 0, output)

    def test_file_checks(self):
        cases = [
            ("a block that differs from its file",
             lambda t: t.write("docs/examples/hello.sh", "echo hi\n"),
             "the block differs from docs/examples/hello.sh"),
            ("an example no page shows",
             lambda t: t.write("docs/examples/extra.sh", "true\n"),
             "docs/examples/extra.sh is not shown in any document"),
            ("an example no run block uses",
             lambda t: t.write("docs/examples/extra.sh", "true\n"),
             "docs/examples/extra.sh is not used by any run block"),
            ("a link to a missing page",
             lambda t: t.write("docs/other.md", "[gone](gone.md)\n## Second part\n"),
             "link to a missing file: gone.md"),
            ("a link to a missing heading",
             lambda t: t.write("docs/other.md", "# Other\n"),
             "link to a missing heading: other.md#second-part"),
            ("a run block without output",
             lambda t: t.write("docs/guide.md", GOOD_GUIDE.replace("<!-- output: hello -->", "")),
             "run block hello has no output block"),
            ("a marker without a fence",
             lambda t: t.write("docs/guide.md", GOOD_GUIDE.replace("<!-- run: hello -->\n",
                                                                  "<!-- run: hello -->\n\n")),
             "a marker must stand right above a code fence"),
        ]
        for name, spoil, message in cases:
            with self.subTest(name):
                tree = self.tree()
                spoil(tree)
                status, output = tree.check("files", tree.root)
                self.assertEqual(status, 1, output)
                self.assertIn(message, output)

    def test_generated_text_that_differs_is_found_and_rewritten(self):
        tree = self.tree(GOOD_GUIDE.replace("| a | b |", "| a | c |"))
        status, output = tree.check("generated", tree.root, tree.generator)
        self.assertEqual(status, 1)
        self.assertIn("the block differs from what generator table prints", output)
        self.assertEqual(tree.check("update", tree.root, tree.generator)[0], 0)
        self.assertEqual(tree.read("docs/guide.md"), GOOD_GUIDE)

    def test_run_blocks(self):
        cases = [
            ("output that differs", GOOD_GUIDE.replace("\nhello\n2031", "\nhallo\n2031"),
             "the output differs from the guide's"),
            ("a command that fails", GOOD_GUIDE.replace("sh docs/examples/hello.sh\n",
                                                        "sh docs/examples/hello.sh\nfalse\n"),
             "the commands ended with status 1"),
            ("a line more than the guide shows",
             GOOD_GUIDE.replace("echo \"2024", "echo extra\necho \"2024"),
             "+extra"),
        ]
        for name, guide, message in cases:
            with self.subTest(name):
                tree = self.tree(guide)
                status, output = tree.check("run", tree.root, tree.build, "hello")
                self.assertEqual(status, 1, output)
                self.assertIn(message, output)

    def test_the_commands_run_in_a_folder_of_their_own(self):
        guide = GOOD_GUIDE.replace("sh docs/examples/hello.sh\n",
                                   "sh docs/examples/hello.sh\ntest -L build && test \"$HOME\" = \"$PWD/home\"\n")
        tree = self.tree(guide)
        status, output = tree.check("run", tree.root, tree.build, "hello")
        self.assertEqual(status, 0, output)

    def test_what_the_commands_leave_running_is_ended(self):
        marker = os.path.join(tempfile.gettempdir(), "check-docs-leftover-%d" % os.getpid())
        self.addCleanup(lambda: os.path.exists(marker) and os.remove(marker))
        guide = GOOD_GUIDE.replace(
            "sh docs/examples/hello.sh\n",
            "sh docs/examples/hello.sh\n(sleep 3; touch %s) > /dev/null 2>&1 &\n" % marker)
        tree = self.tree(guide)
        status, output = tree.check("run", tree.root, tree.build, "hello")
        self.assertEqual(status, 0, output)
        time.sleep(4)
        self.assertFalse(os.path.exists(marker), "the background command outlived the block")

    def test_python_blocks_are_skipped_without_an_interpreter(self):
        tree = self.tree(GOOD_GUIDE.replace("sh docs/examples/hello.sh", "python3 -c 'print(1)'"))
        status, output = tree.check("run", tree.root, tree.build, "hello")
        self.assertEqual(status, 77, output)

    def test_accept_writes_the_output_the_commands_print(self):
        tree = self.tree(GOOD_GUIDE.replace("\nhello\n2031", "\nstale\n2031"))
        self.assertEqual(tree.check("accept", tree.root, tree.build, "hello")[0], 0)
        status, output = tree.check("run", tree.root, tree.build, "hello")
        self.assertEqual(status, 0, output)
        self.assertIn("hello\n2024-5-17 09:03:12", tree.read("docs/guide.md"))


if __name__ == "__main__":
    unittest.main()
