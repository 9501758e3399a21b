// The pop-up menus of the companion's pages. A page names its menus in aMenus (element ids) and
// keeps abMenuVisible and abMouseOverMenu beside it.
var bMenuDisplayed = false;

function ShowMenu(menu, x, y) {
    var element = document.getElementById(aMenus[menu]);
    if (!element) return;
    element.style.left = x + "px";
    element.style.top = y + "px";
    element.style.display = "block";
    abMenuVisible[menu] = true;
    bMenuDisplayed = true;
}

function HideMenus() {
    for (var i = 0; i < aMenus.length; i++) {
        var element = document.getElementById(aMenus[i]);
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
    for (var i = 0; i < abMouseOverMenu.length; i++) if (abMouseOverMenu[i]) return true;
    return false;
}

// A mouse press outside every menu closes them.
function MenuOnMouseDown() {
    if (!MouseOverAnyMenu()) HideMenus();
}
