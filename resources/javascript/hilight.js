// Lets the user pick one element of a web page: the element under the mouse
// gets a red border, a click keeps only that element in the page.
// Plain DOM on purpose: the page it is injected into may not have jQuery.
(function () {
    "use strict";

    // Injected scripts can run more than once in the same page; the mark
    // lives on the DOM so no global variable is needed.
    var root = document.documentElement;
    if (root.hasAttribute("data-shelvio-hilight")) {
        return;
    }
    root.setAttribute("data-shelvio-hilight", "");

    var HILIGHT = "2px solid red";

    function clearBorder(el) {
        if (el && el.style) {
            el.style.border = "none";
        }
    }

    function onOver(event) {
        var el = event.target;
        if (!el || !el.style) {
            return;
        }
        // Only the innermost element under the mouse stays highlighted.
        for (var up = el.parentElement; up; up = up.parentElement) {
            clearBorder(up);
        }
        if (el.parentElement) {
            Array.prototype.forEach.call(el.parentElement.children, clearBorder);
        }
        Array.prototype.forEach.call(el.children, clearBorder);
        el.style.border = HILIGHT;
    }

    function onOut(event) {
        clearBorder(event.target);
    }

    function onClick(event) {
        var el = event.target;
        // Keep links and forms from acting on the click.
        event.preventDefault();
        event.stopPropagation();
        if (!el || !el.style || el === document.body || el === document.documentElement) {
            return;
        }
        detach();
        if (el.parentNode) {
            el.parentNode.removeChild(el);
        }
        document.body.innerHTML = "";
        clearBorder(el);
        document.body.appendChild(el);
    }

    function attach() {
        if (!document.body) {
            return;
        }
        document.body.addEventListener("mouseover", onOver);
        document.body.addEventListener("mouseout", onOut);
        // Capture phase so the page's own click handlers don't run first.
        document.addEventListener("click", onClick, true);
    }

    function detach() {
        document.body.removeEventListener("mouseover", onOver);
        document.body.removeEventListener("mouseout", onOut);
        document.removeEventListener("click", onClick, true);
    }

    if (document.readyState === "loading") {
        document.addEventListener("DOMContentLoaded", attach);
    } else {
        attach();
    }
})();
