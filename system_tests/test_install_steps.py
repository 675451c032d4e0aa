"""The README's installation steps and the demo's installer name the same steps in the same
order, so the section an admin follows is the one the demo runs; the README's registration
script registers an installed agent."""
import ast
import re

import winhost
from agent_install import Installation

from refserver import RefServer

SECTION = "## Installing on a Windows host"
REMOVAL = "### Removing it"
STEP = re.compile(r"^\d+\. \*\*(.+?)\.\*\*")


def readme_steps():
    """The bold titles of the numbered steps: those of the installation, those of the removal."""
    text = (winhost.SOURCE_DIR / "README.md").read_text(encoding="utf-8")
    section = text.split(SECTION, 1)[1]
    section = re.split(r"^## ", section, maxsplit=1, flags=re.M)[0]
    install, removal = section.split(REMOVAL, 1)

    def titles(part):
        return [m.group(1) for m in map(STEP.match, part.splitlines()) if m]
    return titles(install), titles(removal)


def demo_steps(name):
    """The step names of one of the demo's step lists, read from its source."""
    tree = ast.parse((winhost.SOURCE_DIR / "tools" / "demo.py").read_text(encoding="utf-8"))
    for node in tree.body:
        if isinstance(node, ast.Assign) and any(getattr(t, "id", None) == name
                                                for t in node.targets):
            return [ast.literal_eval(entry.elts[0]) for entry in node.value.elts]
    raise AssertionError("tools/demo.py has no %s" % name)


def test_readme_lists_the_steps_the_demo_runs():
    install, removal = readme_steps()
    assert install == demo_steps("INSTALL_STEPS")
    assert removal == demo_steps("REMOVAL_STEPS")


def readme_script():
    """The script of the step "Register the account": the indented block after the words
    "from a script such as"."""
    text = (winhost.SOURCE_DIR / "README.md").read_text(encoding="utf-8")
    lines = text.split("from a script such as", 1)[1].splitlines()[1:]
    block = []
    for line in lines:
        if block and not line.strip():
            break
        if line.strip():
            block.append(line.strip())
    return block


def test_the_readme_script_registers_the_account_and_starts_work(tmp_path):
    script = readme_script()
    account = re.search(r'Register "([^"]+)", "([^"]+)"', "\n".join(script)).groups()
    (tmp_path / "register.vbs").write_text("\r\n".join(script) + "\r\n")
    with RefServer(accounts=[account], tls=True) as server:
        with Installation(server.url) as agent:
            agent.start()
            done = winhost.run("cscript", "//nologo",
                               "Z:" + str(tmp_path / "register.vbs").replace("/", "\\"))
            assert done.returncode == 0, done.stdout + done.stderr
            assert server.wait_for(lambda exchanges: any(
                e.kind == "session" for e in exchanges), 30), server.exchanges
    logins = [e for e in server.exchanges if e.kind == "login"]
    assert (logins[0].header("Tol-EMail"), logins[0].header("Tol-AName")) == account
