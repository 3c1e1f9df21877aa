// The page: one <cinefold-player> with controls, playing the built-in demo or a file dropped
// anywhere on the page or picked, with what `cinefold info` says about it below. The URL
// parameters src, frame, paused, screen, stretch and preview go to the player as its attributes.

const player = document.getElementById('player');
const problem = document.getElementById('problem');

const parameters = new URLSearchParams(location.search);
for (const name of ['frame', 'screen', 'preview'])
    if (parameters.has(name)) player.setAttribute(name, parameters.get(name));
for (const name of ['paused', 'stretch'])
    if (parameters.get(name) === '1') player.setAttribute(name, '');

player.addEventListener('load', (event) => {
    document.getElementById('name').textContent = event.detail.name;
    document.getElementById('info').textContent = player.info;
    problem.textContent = '';
    // The frame asked for holds for the first file only.
    player.removeAttribute('frame');
});
player.addEventListener('problem', (event) => { problem.textContent = event.detail.message; });

async function play(file) {
    player.load(file.name, new Uint8Array(await file.arrayBuffer()));
}

document.getElementById('file').addEventListener('change', (event) => {
    if (event.target.files[0]) play(event.target.files[0]);
});
document.addEventListener('dragover', (event) => {
    event.preventDefault();
    document.body.classList.add('dragging');
});
document.addEventListener('dragleave', () => document.body.classList.remove('dragging'));
document.addEventListener('drop', (event) => {
    event.preventDefault();
    document.body.classList.remove('dragging');
    const file = event.dataTransfer?.files[0];
    if (file) play(file);
});

// Keys pressed with nothing else focused reach the player, as in `cinefold play`.
document.addEventListener('keydown', (event) => {
    if (event.target === document.body) player.key(event);
});

player.setAttribute('src', parameters.get('src') ?? 'demo.cfc');
player.focus();
