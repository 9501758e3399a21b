// The vehicle information page: moves what the user does to the program and keeps the page's own
// layout (tabs, custom entry, the open plan row, the QuickStart balloons). The program fills the
// lists and the plan table and stores the car; what it reads back lives in form controls and in
// DirtyFlag.

const LIST_METHODS = {
    Year: "UpdateYearList", Make: "UpdateMakeList", Model: "UpdateModelList", Style: "UpdateStyleList",
    DriveType: "UpdateDriveTypeList", Engine: "UpdateEngineList", Transmission: "UpdateTransmissionList",
};
const QS_ORDER = ["CarMake", "CarYear", "CarModel", "CarStyle", "CarDriveType", "CarEngine", "CarTransmission",
    "CarCurrentOdometer", "CarDriving"];
const listsFetched = {};
let confirmedChange = false;
let busy = false;

function el(id) { return document.getElementById(id); }
function isEditPage() { return el("AddEdit").innerText.trim() === "Edit Vehicle"; }
function quickStartMode() { return el("QuickStartEnabled").innerText.trim(); }
function setDirty() { el("DirtyFlag").innerText = "true"; }
function isCustom() { return el("CustomStyle").checked; }
function drivingRadios() { return document.getElementsByName("CarDriving"); }
function checkedDriving() {
    for (const radio of drivingRadios()) if (radio.checked) return radio.value;
    return "";
}

// --- tabs -----------------------------------------------------------------------------------

async function ShowTab(name) {
    if (document.body.dataset.tab === "Plan" && name !== "Plan" && !(await ClosePlanRow(true))) return;
    document.body.dataset.tab = name;
}

// --- the car tab ----------------------------------------------------------------------------

async function SelectItem(element) {
    if (isEditPage() && !confirmedChange) {
        if (!(await jvConfirm("Are you sure you want to change this information on a saved vehicle?"))) {
            // Put the old choice back.
            if (element.tagName === "SELECT") element.selectedIndex = Number(element.dataset.lastIndex || 0);
            else for (const radio of drivingRadios()) radio.checked = radio.value === element.dataset.lastValue;
            return;
        }
        confirmedChange = true;
    }
    if (element.tagName === "SELECT") {
        await window.external.EnterCarSelect(element.name, element.value);
    } else {
        await window.external.EnterCarSelect("CarDriving", checkedDriving());
        if (isCustom()) CheckCustomComplete();
    }
    setDirty();
    rememberChoices();
    NextQuickStartTip(element.name);
}

function rememberChoices() {
    for (const select of document.querySelectorAll("select[data-list]")) select.dataset.lastIndex = select.selectedIndex;
    for (const radio of drivingRadios()) radio.dataset.lastValue = checkedDriving();
}

// On an edit page the lists hold only the stored choice until the user points at one.
async function FillList(select) {
    const list = select.dataset.list;
    if (!isEditPage() || listsFetched[list]) return;
    listsFetched[list] = true;
    await window.external[LIST_METHODS[list]]();
    rememberChoices();
}

function IsCustomStyle() {
    document.getElementById("TableCar").className = isCustom() ? "cartable custom" : "cartable";
    if (isCustom()) {
        CheckCustomComplete();
    } else {
        const unset = ["CarDriveType", "CarEngine", "CarTransmission"].every((id) => el(id).selectedIndex < 1);
        if (unset) {
            el("DownloadPlan").disabled = true;
            for (const radio of drivingRadios()) radio.disabled = true;
        }
    }
}

// A custom car may fetch a plan once its year, make, model and style are typed.
function CheckCustomComplete() {
    if (!isCustom()) return;
    const typed = ["CustomCarYear", "CustomCarMake", "CustomCarModel", "CustomCarStyle"].every((id) => el(id).value.trim() !== "");
    for (const radio of drivingRadios()) radio.disabled = !typed;
    el("DownloadPlan").disabled = !(typed && checkedDriving() !== "");
}

// onchange of the custom year: a year the page does not take is emptied, with the program's message.
async function ValidateYear(input) {
    const typed = input.value;
    // The checks of the page's save are the program's, as its own saves make them: each answers
    // its call.
    const answer = await window.external.CheckCustomYear(typed);
    const refusal = answer ? answer.refusal : "";
    if (refusal && input.value === typed) {
        input.value = "";
        jvAlert(refusal);
    }
}

// --- the plan tab ---------------------------------------------------------------------------

async function DownloadPlan() {
    ClosePlanRow(true);
    document.body.style.cursor = "wait";
    try {
        await window.external.GetMaintenancePlan();
        ShowTab("Plan");
        setDirty();
    } finally {
        document.body.style.cursor = "";
    }
    if (quickStartMode() === "2") await handBackToQuickStart();
}

function openRow() { return document.querySelector("#serviceitems tr.registerrowcurrent"); }
function rowInputs(row) {
    const get = (name) => row.querySelector("[name=" + name + "]");
    return [get("InputInitialDistance"), get("InputInitialTime"), get("InputIntervalDistance"), get("InputIntervalTime")];
}
function rowOriginals(row) {
    return ["OrigInitialDistance", "OrigInitialMonths", "OrigIntervalDistance", "OrigIntervalMonths"]
        .map((name) => row.querySelector("." + name).innerText);
}
function restingClass(row) { return row.rowIndex % 2 === 1 ? "registerrowtop" : "registerrowbottom"; }

async function OpenPlanRow(row) {
    if (openRow() === row) return;
    if (!(await ClosePlanRow(false))) return;
    row.className = "registerrowcurrent";
    const originals = rowOriginals(row);
    rowInputs(row).forEach((input, i) => { input.value = originals[i]; });
    row.querySelector(".schedule").style.display = "none";
    row.querySelector(".editbox").style.display = "";
    row.scrollIntoView({ block: "nearest" });
    rowInputs(row)[0].focus();
}

// Closes the open row; with `ask`, changed values are kept (saved) or reverted as the user says.
// False when the program refused the values kept: the row stays open.
async function ClosePlanRow(ask) {
    const row = openRow();
    if (!row) return true;
    const originals = rowOriginals(row);
    const changed = rowInputs(row).some((input, i) => (input.value.trim() || "0") !== (originals[i] || "0"));
    if (changed && (!ask || (await jvConfirm("You made changes to a maintenance plan item.  Click OK to keep changes or click Cancel to revert to the previous values.")))) {
        return ChangePlanItem(row);
    }
    // Reverted: the inputs go back to the schedule shown, so that nothing of them is kept later.
    rowInputs(row).forEach((input, i) => { input.value = originals[i]; });
    row.className = restingClass(row);
    row.querySelector(".schedule").style.display = "";
    row.querySelector(".editbox").style.display = "none";
    return true;
}

// Hands the row's texts to the program, which reads them in the user's number format; a row it
// refused (it said why) stays open with the typing. False then.
async function ChangePlanItem(row) {
    row = row || openRow();
    if (!row) return true;
    const values = rowInputs(row).map((input) => input.value);
    await window.external.UpdateMaintenancePlanItem(Number(row.id.replace(/\D/g, "")), ...values);
    if (el("PlanRowRefused").textContent === "true") return false;
    setDirty();
    row.className = restingClass(row);
    row.querySelector(".schedule").style.display = "";
    row.querySelector(".editbox").style.display = "none";
    return true;
}

async function AddServiceItems() {
    if (!(await ClosePlanRow(true))) return;
    await window.external.ShowAddServiceItemsDlg();
}

function ShowPlanMenu(event, row) {
    const menu = el("MenuMaintenancePlan");
    menu.dataset.row = row.rowIndex;
    menu.style.left = event.pageX + "px";
    menu.style.top = event.pageY + "px";
    menu.style.display = "block";
}

async function DeletePlanRow() {
    const menu = el("MenuMaintenancePlan");
    menu.style.display = "none";
    await window.external.DeleteServiceItem(Number(menu.dataset.row));
}

// --- saving ---------------------------------------------------------------------------------

async function SaveCar() {
    if (!(await ClosePlanRow(false))) return;
    const check = Object.assign({}, await window.external.CheckCar());
    if (check.refusal) {
        await jvAlert(check.refusal);
        el(check.field).focus();
        return;
    }
    if (check.styleRefusal) {
        await jvAlert(check.styleRefusal);
        return;
    }
    if (check.odometerRefusal) {
        await jvAlert(check.odometerRefusal);
        el(check.odometerField).focus();
        return;
    }
    if (busy) return;
    busy = true;
    try {
        await window.external.AddCar();
    } finally {
        busy = false;
    }
    if (el("DirtyFlag").innerText.trim() !== "true" && quickStartMode() !== "0") await handBackToQuickStart();
}

async function CancelChanges() {
    el("DirtyFlag").innerText = "false";
    location.reload();
}

// --- QuickStart -----------------------------------------------------------------------------

function ClearAllQSTips() {
    for (const tip of el("QuickStartTips").children) tip.style.display = "none";
}

async function handBackToQuickStart() {
    ClearAllQSTips();
    await window.external.QuickStart();
}

// In car entry, each choice shows the balloon of the next field that still needs one.
async function NextQuickStartTip(name) {
    if (quickStartMode() !== "1") return;
    const at = QS_ORDER.indexOf(name);
    if (at < 0) return;
    ClearAllQSTips();
    if (name === "CarDriving") {
        await handBackToQuickStart();
        return;
    }
    for (let i = at + 1; i < QS_ORDER.length; i++) {
        const field = el(QS_ORDER[i]);
        if (field.tagName === "SELECT" && (field.options.length <= 2 || field.style.display === "none")) continue;
        const tip = el("QS_" + QS_ORDER[i]);
        if (tip) tip.style.display = "";
        return;
    }
}

// --- wiring ---------------------------------------------------------------------------------

window.addEventListener("DOMContentLoaded", () => {
    for (const tab of document.querySelectorAll(".tabstrip .tab")) tab.addEventListener("click", () => ShowTab(tab.dataset.div));
    el("ShowOptionalTabs").addEventListener("click", (event) => {
        event.preventDefault();
        document.body.classList.add("optional");
    });
    for (const select of document.querySelectorAll("select[data-list]")) {
        select.addEventListener("change", () => SelectItem(select));
        select.addEventListener("mouseover", () => FillList(select));
        select.addEventListener("focus", () => FillList(select));
    }
    for (const radio of drivingRadios()) radio.addEventListener("click", () => SelectItem(radio));
    el("CustomStyle").addEventListener("click", () => { IsCustomStyle(); setDirty(); });
    for (const id of ["CustomCarYear", "CustomCarMake", "CustomCarModel", "CustomCarStyle", "CustomCarDriveType", "CustomCarEngine", "CustomCarTransmission"])
        el(id).addEventListener("blur", CheckCustomComplete);
    el("CustomCarYear").addEventListener("change", () => ValidateYear(el("CustomCarYear")));
    el("CarCurrentOdometer").addEventListener("change", () => NextQuickStartTip("CarCurrentOdometer"));
    // A field is changed as soon as it is typed in, not only once the cursor leaves it: leaving
    // the page by a key while the cursor is still in the field must ask too.
    for (const field of document.querySelectorAll(".tabbody input, .tabbody textarea")) {
        if (field.closest("#serviceitems")) continue;
        field.addEventListener("input", setDirty);
        field.addEventListener("change", setDirty);
    }
    el("DownloadPlan").addEventListener("click", DownloadPlan);
    el("AddServiceItems").addEventListener("click", AddServiceItems);
    el("SaveVehicle").addEventListener("click", SaveCar);
    el("Cancel").addEventListener("click", CancelChanges);
    el("Delete").addEventListener("click", DeletePlanRow);

    const table = el("serviceitems");
    table.addEventListener("click", (event) => {
        const row = event.target.closest("tr");
        if (event.target.closest(".ItemSubmit")) { ChangePlanItem(row); return; }
        if (row && row.rowIndex > 0) OpenPlanRow(row);
    });
    // A schedule typed into a plan row is a change of the page's as soon as it is typed.
    table.addEventListener("input", (event) => {
        if (event.target.closest(".editbox")) setDirty();
    });
    table.addEventListener("keydown", (event) => {
        if (event.key === "Enter" && event.target.closest(".editbox")) {
            event.preventDefault();
            ChangePlanItem(event.target.closest("tr"));
        }
    });
    table.addEventListener("contextmenu", (event) => {
        const row = event.target.closest("tr");
        if (row && row.rowIndex > 0) ShowPlanMenu(event, row);
    });
    document.addEventListener("click", (event) => {
        el("MenuMaintenancePlan").style.display = "none";
        if (!event.target.closest("#serviceitems") && !event.target.closest("button")) ClosePlanRow(true);
    });
    rememberChoices();
});
