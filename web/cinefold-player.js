// <cinefold-player src="aquarium.scr" stretch controls></cinefold-player>: plays an animation
// container, or a saver that carries one, as the saver plays it. The module does everything that
// matters (loading, ticking, composing, presenting on the picture that stands for the screen);
// this element fetches the bytes, calls the module when a tick is due, and puts the picture on
// its canvas. It plays while it is on screen and the tab is visible, and calls nothing otherwise.
//
// Attributes: src (a URL), stretch (the saver's "Stretch as Desktop Size"), controls, screen="WxH"
// (the screen's size; otherwise the element's own size stands for the screen), preview="WxH" (the
// display settings' preview window of that size, on `screen` or a 1024x768 screen), frame="N"
// (the first frame shown), paused. A user who prefers reduced motion gets it paused.
//
// Events: "load" after an animation is taken, "problem" (detail.message, the tool's line) when a
// file holds no animation, "frame" after each new picture.

const scriptUrl = document.currentScript ? document.currentScript.src : location.href;
// The display settings' screen when a preview is asked for without a screen size, as the tool has.
const previewScreen = {width: 1024, height: 768};
const largestSide = 32767;
// How long before a tick is due the player stops sleeping and waits for animation frames, which
// come every 16.7 ms at 60 Hz.
const earlyWake = 20;

// One module serves every player on the page. Its standard output and error, which the tool's
// info command writes to, go to whichever call is collecting them.
let modulePromise = null;
let collected = null;
function loadModule() {
    modulePromise ??= CinefoldModule({
        locateFile: (name) => new URL(name, scriptUrl).href,
        print: (line) => collected?.out.push(line),
        printErr: (line) => collected?.err.push(line),
    });
    return modulePromise;
}

// "WxH" with both sides in 1..32767, as the tool takes it; null otherwise.
function parseSize(text) {
    const match = /^(\d{1,5})x(\d{1,5})$/.exec(text ?? '');
    if (!match) return null;
    const [width, height] = [Number(match[1]), Number(match[2])];
    return width >= 1 && height >= 1 && width <= largestSide && height <= largestSide
        ? {width, height} : null;
}

// The name the module and the messages use: the last part of a path or URL, without a query.
function fileName(path) {
    const name = String(path).split(/[?#]/)[0].split('/').pop();
    return name && name !== '.' && name !== '..' ? decodeURIComponent(name) : 'file';
}

const template = document.createElement('template');
template.innerHTML = `<style>
:host { display: block; position: relative; width: 640px; height: 480px; background: #000;
        color: #eee; font: 14px system-ui, sans-serif; }
:host(:fullscreen) { width: 100vw; height: 100vh; }
:host([hidden]) { display: none; }
.frame { display: flex; flex-direction: column; width: 100%; height: 100%; }
.screen { flex: 1; min-height: 0; display: flex; align-items: center; justify-content: center;
          overflow: hidden; }
canvas { display: block; image-rendering: pixelated; }
.bar { display: flex; gap: 4px; align-items: center; padding: 4px; background: #222; }
.bar[hidden] { display: none; }
button { font: inherit; min-width: 2.4em; padding: 2px 8px; background: #444; color: #fff;
         border: 1px solid #666; border-radius: 3px; }
button[aria-pressed="true"] { background: #269; }
button:focus-visible { outline: 2px solid #fc0; }
output { min-width: 7em; padding: 0 6px; font-variant-numeric: tabular-nums; }
</style>
<div class="frame">
  <div class="screen"><canvas role="img" aria-label="Cinefold animation"></canvas></div>
  <div class="bar" hidden>
    <button data-do="pause">Pause</button>
    <button data-do="back" aria-label="Step back one frame" disabled>&#x25C0;</button>
    <button data-do="forward" aria-label="Step forward one frame" disabled>&#x25B6;</button>
    <output aria-label="Frame">frame 0</output>
    <button data-do="stretch" aria-pressed="false">Stretch</button>
    <button data-do="fullscreen">Full screen</button>
    <button data-do="save" aria-label="Save this frame as PNG">Save PNG</button>
  </div>
</div>`;

class CinefoldPlayer extends HTMLElement {
    static get observedAttributes() { return ['src', 'stretch', 'controls', 'screen', 'preview']; }

    constructor() {
        super();
        const root = this.attachShadow({mode: 'open'});
        root.append(template.content.cloneNode(true));
        this.canvas = root.querySelector('canvas');
        this.context = this.canvas.getContext('2d');
        this.screenBox = root.querySelector('.screen');
        this.bar = root.querySelector('.bar');
        this.buttons = Object.fromEntries(
            [...root.querySelectorAll('button')].map((b) => [b.dataset.do, b]));
        this.counter = root.querySelector('output');
        // Every call into the module that this player makes, for tests and the curious.
        this.moduleCalls = 0;
        this.name = '';
        this.info = '';
        this.frame = -1;
        this.firstFrameTime = null;
        this.paused = false;
        this.onScreen = false;
        this.due = 0;
        this.frameRequest = 0;
        this.timer = 0;
        this.web = 0;
        this.tick = this.tick.bind(this);
        this.schedule = this.schedule.bind(this);
        this.bar.addEventListener('click', (event) => {
            const action = event.target.closest('button')?.dataset.do;
            if (action) this.act(action);
        });
        this.addEventListener('keydown', (event) => this.key(event));
        this.ready = this.prepare();
    }

    connectedCallback() {
        if (!this.hasAttribute('tabindex')) this.tabIndex = 0;
        this.resizes = new ResizeObserver(() => this.present());
        this.resizes.observe(this.screenBox);
        this.sightings = new IntersectionObserver((entries) => {
            this.onScreen = entries[entries.length - 1].isIntersecting;
            this.schedule();
        });
        this.sightings.observe(this);
        document.addEventListener('visibilitychange', this.schedule);
        this.bar.hidden = !this.hasAttribute('controls');
    }

    disconnectedCallback() {
        this.resizes.disconnect();
        this.sightings.disconnect();
        document.removeEventListener('visibilitychange', this.schedule);
        this.onScreen = false;
        this.schedule();
    }

    attributeChangedCallback(name) {
        // The file is fetched while the module is still being made ready.
        if (name === 'src') this.open(this.getAttribute('src'));
        if (!this.web) return;
        if (name === 'stretch') this.call('cf_player_set_stretch', this.hasAttribute('stretch') ? 1 : 0);
        if (name === 'controls') this.bar.hidden = !this.hasAttribute('controls');
        this.present();
    }

    async prepare() {
        this.module = await loadModule();
        this.web = this.call('cf_player_new');
        this.call('cf_player_set_stretch', this.hasAttribute('stretch') ? 1 : 0);
        this.paused = this.hasAttribute('paused') ||
            matchMedia('(prefers-reduced-motion: reduce)').matches;
    }

    call(name, ...args) {
        ++this.moduleCalls;
        return this.module['_' + name](...(name === 'cf_info' ? args : [this.web, ...args]));
    }

    // Fetches and plays the file at url; a file that cannot be fetched is reported as the tool
    // reports a file it cannot open.
    async open(url) {
        const name = fileName(url);
        let response;
        try {
            response = await fetch(url);
        } catch (error) {
            return this.problem(`cinefold: ${name}: cannot open: ${error.message}`);
        }
        if (!response.ok)
            return this.problem(`cinefold: ${name}: cannot open: HTTP ${response.status}`);
        return this.load(name, new Uint8Array(await response.arrayBuffer()));
    }

    // Plays the bytes of a file called `name` (a container or a saver). A file that holds no
    // animation leaves the one playing as it was and raises "problem" with the tool's line.
    // Resolves to true when the animation was taken.
    async load(name, bytes) {
        await this.ready;
        name = fileName(name);
        const module = this.module;
        const nameBytes = new TextEncoder().encode(name);
        const namePointer = module._malloc(nameBytes.length + 1);
        const pointer = module._malloc(Math.max(bytes.length, 1));
        if (!pointer || !namePointer) {
            module._free(pointer);
            module._free(namePointer);
            return this.problem(`cinefold: ${name}: cannot open: too large for the page's memory`);
        }
        module.stringToUTF8(name, namePointer, nameBytes.length + 1);
        module.HEAPU8.set(bytes, pointer);
        const first = Number.parseInt(this.getAttribute('frame') ?? '0', 10);
        const taken = this.call('cf_player_load', pointer, bytes.length,
                                Number.isFinite(first) && first >= 0 ? first : 0,
                                this.paused ? 1 : 0, performance.now()) === 1;
        if (taken) {
            this.name = name;
            this.canvas.setAttribute('aria-label', `Cinefold animation: ${name}`);
            this.due = 0;
            this.present();
            this.showState();
            this.schedule();
        }
        // What the tool says about the file, its info or its problem, once the picture is up.
        await new Promise((resolve) => setTimeout(resolve, 0));
        collected = {out: [], err: []};
        this.call('cf_info', namePointer, pointer, bytes.length);
        const lines = collected;
        collected = null;
        module._free(pointer);
        module._free(namePointer);
        if (!taken) {
            this.problem(lines.err.find((line) => line.startsWith('cinefold: ')) ??
                         `cinefold: ${name}: holds no animation`);
            return false;
        }
        this.info = [...lines.out, ...lines.err].join('\n');
        this.dispatchEvent(new CustomEvent('load', {detail: {name}}));
        return true;
    }

    problem(message) {
        this.dispatchEvent(new CustomEvent('problem', {detail: {message}}));
        return false;
    }

    // The picture's size (the window: the whole screen, or the preview's client area) and the
    // screen's.
    geometry() {
        const preview = parseSize(this.getAttribute('preview'));
        const fixed = parseSize(this.getAttribute('screen'));
        if (preview) return {client: preview, screen: fixed ?? previewScreen, fixed: true};
        if (fixed) return {client: fixed, screen: fixed, fixed: true};
        const own = {width: Math.max(1, Math.min(largestSide, Math.floor(this.screenBox.clientWidth))),
                     height: Math.max(1, Math.min(largestSide, Math.floor(this.screenBox.clientHeight)))};
        return {client: own, screen: own, fixed: false};
    }

    // Shows the module's picture of the window as the saver paints it.
    present() {
        if (!this.name) return;
        const {client, screen, fixed} = this.geometry();
        const canvas = this.canvas;
        if (canvas.width !== client.width || canvas.height !== client.height) {
            canvas.width = client.width;
            canvas.height = client.height;
        }
        // A screen of a given size keeps its pixels and is only fitted into the element, whole.
        const fit = fixed ? Math.min(1, this.screenBox.clientWidth / client.width,
                                     this.screenBox.clientHeight / client.height) : 1;
        canvas.style.width = `${client.width * fit}px`;
        canvas.style.height = `${client.height * fit}px`;
        const pointer = this.call('cf_player_present', client.width, client.height, screen.width,
                                  screen.height);
        if (!pointer) return; // a window too large for the module's memory stays blank
        const count = this.call('cf_player_drawn_count');
        const edges = new Int32Array(this.module.HEAPU8.buffer, this.call('cf_player_drawn'),
                                     count * 4);
        const pixels = new Uint8ClampedArray(this.module.HEAPU8.buffer, pointer,
                                             client.width * client.height * 4);
        // Only the rectangles that changed; a canvas of a new size starts blank, and the module
        // then gives all of it.
        if (count > 0) {
            const picture = new ImageData(pixels, client.width, client.height);
            for (let i = 0; i < edges.length; i += 4)
                this.context.putImageData(picture, 0, 0, edges[i], edges[i + 1],
                                          edges[i + 2] - edges[i], edges[i + 3] - edges[i + 1]);
        }
        this.frame = this.call('cf_player_frame');
        this.counter.value = `frame ${this.frame}`;
        this.firstFrameTime ??= performance.now();
        this.dispatchEvent(new CustomEvent('frame', {detail: {frame: this.frame}}));
    }

    // Runs while the player is on screen, the tab visible and the animation playing: calls the
    // module when a tick is due and nowhere else. A timer sleeps through most of the period, so
    // that the page does not draw frames of its own in between; the tick itself runs in the
    // animation frame that follows, as the browser paints.
    schedule() {
        const running = this.name && this.onScreen && !document.hidden && !this.paused;
        if (running && !this.frameRequest && !this.timer) {
            const wait = this.due - performance.now() - earlyWake;
            if (wait > 0) this.timer = setTimeout(() => {
                this.timer = 0;
                this.schedule();
            }, wait);
            else this.frameRequest = requestAnimationFrame(this.tick);
        }
        if (!running) {
            cancelAnimationFrame(this.frameRequest);
            clearTimeout(this.timer);
            this.frameRequest = this.timer = 0;
        }
    }

    tick() {
        this.frameRequest = 0;
        const now = performance.now();
        if (now >= this.due) {
            if (this.call('cf_player_advance', now)) this.present();
            const wait = this.call('cf_player_until_tick', now);
            this.due = wait < 0 ? Infinity : now + wait;
        }
        this.schedule();
    }

    setPaused(paused) {
        if (!this.web) return;
        this.paused = paused;
        this.call('cf_player_set_paused', paused ? 1 : 0, performance.now());
        this.due = 0;
        this.showState();
        this.schedule();
    }

    // One frame on (1) or back (-1) while paused.
    step(direction) {
        if (this.paused && this.call('cf_player_step', direction, performance.now())) this.present();
    }

    toggleFullScreen() {
        if (document.fullscreenElement) document.exitFullscreen();
        else this.requestFullscreen?.();
    }

    savePicture() {
        const stem = this.name.replace(/\.[^.]*$/, '') || 'cinefold';
        this.canvas.toBlob((blob) => {
            const link = document.createElement('a');
            link.href = URL.createObjectURL(blob);
            link.download = `${stem}-frame-${this.frame}.png`;
            link.click();
            setTimeout(() => URL.revokeObjectURL(link.href), 0);
        }, 'image/png');
    }

    act(action) {
        switch (action) {
        case 'pause': this.setPaused(!this.paused); break;
        case 'back': this.step(-1); break;
        case 'forward': this.step(1); break;
        case 'stretch': this.toggleAttribute('stretch'); this.showState(); break;
        case 'fullscreen': this.toggleFullScreen(); break;
        case 'save': this.savePicture(); break;
        }
    }

    // The keys of `cinefold play`: space pauses, Left and Right step while paused, s stretches,
    // f switches full screen, Escape leaves it.
    key(event) {
        if (event.ctrlKey || event.altKey || event.metaKey) return;
        // A focused button takes its own space and Enter.
        if (event.composedPath()[0]?.localName === 'button' && (event.key === ' ' || event.key === 'Enter'))
            return;
        const actions = {' ': 'pause', ArrowLeft: 'back', ArrowRight: 'forward', s: 'stretch',
                         f: 'fullscreen'};
        if (event.key === 'Escape' && document.fullscreenElement) document.exitFullscreen();
        else if (actions[event.key]) this.act(actions[event.key]);
        else return;
        event.preventDefault();
    }

    showState() {
        const pause = this.buttons.pause;
        pause.textContent = this.paused ? 'Play' : 'Pause';
        this.buttons.back.disabled = this.buttons.forward.disabled = !this.paused;
        this.buttons.stretch.setAttribute('aria-pressed', String(this.hasAttribute('stretch')));
    }
}

customElements.define('cinefold-player', CinefoldPlayer);
