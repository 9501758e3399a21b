// The pop-up menus of both programs' pages (the main program's home page, the companion's
// reminders). A page names its menus in aMenus (element ids) and keeps abMenuVisible and
// abMouseOverMenu beside it; a menu opens at the mouse, kept inside the window.
var bMenuDisplayed = false;

function ShowMenu(menu, x, y) {
    HideMenus();
    const element = document.getElementById(aMenus[menu]);
    if (!element) return;
    element.style.display = "block";
    const width = element.offsetWidth;
    const height = element.offsetHeight;
    // Just beside the pointer, so that releasing the button picks nothing.
    const left = Math.max(0, Math.min(x + 2, window.innerWidth - width - 2)) + window.scrollX;
    const top = Math.max(0, Math.min(y + 2, window.innerHeight - height - 2)) + window.scrollY;
    element.style.left = left + "px";
    element.style.top = top + "px";
    abMenuVisible[menu] = true;
    bMenuDisplayed = true;
}

function HideMenus() {
    for (let i = 0; i < aMenus.length; i++) {
        const element = document.getElementById(aMenus[i]);
        if (element) element.style.display = "none";
        abMenuVisible[i] = false;
        abMouseOverMenu[i] = false;
    }
    bMenuDisplayed = false;
}

function MouseOverMenu(menu) {
    abMouseOverMenu[menu] = true;
}

function MouseNotOverMenu(menu) {
    abMouseOverMenu[menu] = false;
}

function MouseOverAnyMenu() {
    for (let i = 0; i < abMouseOverMenu.length; i++) if (abMouseOverMenu[i]) return true;
    return false;
}

// A mouse press outside every menu closes them; Escape too.
function MenuOnMouseDown() {
    if (!MouseOverAnyMenu()) HideMenus();
}
document.addEventListener("keydown", function (event) {
    if (event.key === "Escape" && bMenuDisplayed) HideMenus();
});
